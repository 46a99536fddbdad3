# font tests
